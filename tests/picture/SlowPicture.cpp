#include "tests/picture/SlowPicture.h"

namespace testgif {

std::atomic<int> SlowPicture::alive{0};
std::atomic<bool> SlowPicture::rendering{false};

}  // namespace testgif
