// Bundle identifiers of this test process's own. The lookups of running apps read every
// process of the machine, so a test that starts or looks for app processes names its
// bundles with an identifier that no other test run, the demo or a real app can share.
#pragma once

#include <string>

namespace orvo::prueba {

// `base` with a suffix fixed for the life of this process: "com.orvo.video.t1234x5f3a9c01".
std::string idUnico(const std::string& base);

}  // namespace orvo::prueba
