// The Linux console program's entry: everything happens in RunConsole.
#include "ui/console/console_front_end.h"

int main(int argc, char** argv) { return RunConsole(argc, argv); }
