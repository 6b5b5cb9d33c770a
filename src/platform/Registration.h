#pragma once

#include "util/Connection.h"

namespace halvora::platform {

/// A registration with the platform is owned like any other connection.
using Registration = util::Connection;

}  // namespace halvora::platform
