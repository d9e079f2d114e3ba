#include "host/custom_module.h"

namespace tonvo {

void TCustomVSTModule::SetBlockSize(int32_t frames) {
    blockSize_ = frames;
}

} // namespace tonvo
