#pragma once
#include "text/ground.h"
