// SPDX-License-Identifier: Apache-2.0
// The implementation of the version query (slot 0 of frame/export_list.h).
#pragma once

#include "vekdi.h"

namespace vekdi::frame {

const VekdiLibVersion* vekdiGetLibVersion();

}  // namespace vekdi::frame
