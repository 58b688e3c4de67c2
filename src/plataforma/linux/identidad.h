// The program's name on the desktop: the application id, which is also its D-Bus name, its
// desktop entry's file name (com.orvo.suite.desktop), its windows' WM_CLASS and the
// autostart entry's name, so docks and taskbars tie windows to the launcher; and the icon
// the package installs in the hicolor theme.
#pragma once

namespace orvo {

inline constexpr const char* kIdAplicacion = "com.orvo.suite";
inline constexpr const char* kIconoAplicacion = "orvo-suite";

}  // namespace orvo
