// The desktop program. It takes no arguments.
#include "ui/start_up.h"

int main(int argc, char** argv) { return vesmar::RunApplication(argc, argv); }
