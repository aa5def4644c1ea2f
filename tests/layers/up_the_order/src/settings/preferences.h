#pragma once
#include "platform/log_file.h"
