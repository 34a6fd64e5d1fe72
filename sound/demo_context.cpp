#include "sound/demo_context.h"
