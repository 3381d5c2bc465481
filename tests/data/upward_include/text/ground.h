#pragma once
#include "convert/run.h"  // the ground floor reaching up: must be refused
