// zelctl: asks a presence server what the library can ask, acts on its
// users, and prints what comes back.

#include <cstdio>

#include "Run.h"

int main(int argc, char** argv) { return zelctl::Run(argc, argv, stdout, stderr); }
