#include "plugin/common.h"
