#include "tour.h"
