// The window program: everything it does lives in the launch library.
#include "launch/window_program.h"

int main(int argc, char** argv) {
  return dipview::launch::RunWindowProgram(argc, argv);
}
