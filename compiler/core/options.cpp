#include "core/options.h"

Options options;
