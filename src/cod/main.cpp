// vostrum: console set-up, the quiet switch and the banner.
#include "Banner.h"
#include "Console.h"

int main(int argc, char** argv) {
  startProgram(argc, argv, codConverterBanner());
  return 0;
}
