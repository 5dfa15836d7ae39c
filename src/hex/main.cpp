// pellund: console set-up, the quiet switch and the banner.
#include "Banner.h"
#include "Console.h"

int main(int argc, char** argv) {
  startProgram(argc, argv, hexConverterBanner());
  return 0;
}
