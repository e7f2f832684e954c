// The command-line calculator: everything it does lives in the launch library.
#include "launch/calc_program.h"

int main(int argc, char** argv) {
  return dipview::launch::RunCalculatorProgram(argc, argv);
}
