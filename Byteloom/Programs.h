// The two programs built on the skeleton.
#pragma once

#include "Byteloom/ProgramSkeleton.h"

namespace byteloom {

Program ByteloomProgram();
Program BootmendProgram();

}  // namespace byteloom
