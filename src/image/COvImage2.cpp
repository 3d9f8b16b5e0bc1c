#include "image/COvImage2.h"
