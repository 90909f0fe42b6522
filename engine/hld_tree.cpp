#include "engine/hld_tree.h"
