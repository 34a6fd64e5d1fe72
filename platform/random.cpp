#include "platform/random.h"

namespace platform {

Random& random() {
    static Random r;
    return r;
}

} // namespace platform
