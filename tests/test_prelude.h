// What nearly every test file starts with: GoogleTest, the tables' reader,
// a temporary folder, raised errors and the recording environment.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "case_file.h"
#include "raised_error.h"
#include "recording_environment.h"
#include "support/error.h"
#include "temp_folder.h"

using namespace tintext;
using namespace tintext::testing;
namespace fs = std::filesystem;
