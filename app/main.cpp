// The program's entry: the demo takes no command line.
#include "app/demo.h"

int main() { return DemoMain(); }
