// Deferral notices, the reveal gesture and the status lines.
#include "window/status_lines.h"

StatusDisplayState StatusDisplay;
