#include "expand/url_passes.h"
