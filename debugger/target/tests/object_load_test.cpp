#include "target_fixture.h"
