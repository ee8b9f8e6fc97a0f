#include "formfixture.h"
