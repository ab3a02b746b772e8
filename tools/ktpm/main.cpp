// The ktpm program: shows and drives simulation projects from the command line.
#include "Command.h"

int main(int argc, char** argv) { return ktpm::tool::RunCommandLine(argc, argv); }
