// GIO's extension points (proxy resolver, TLS backend, network and power monitors, settings
// backend, VFS) load their modules through GModule on whichever thread asks first. A thread
// inside GModule's lock that waits for the loader's lock deadlocks with a dlopen whose
// constructors take GModule's lock (the web module's libsoup does), so the program resolves
// them all on the main thread before any thread of its own starts.
#pragma once

namespace orvo {

void resolverModulosGio();

}  // namespace orvo
