#include <iostream>

#include "app/entry.h"

int main(int argc, char** argv) { return app::RunProcess(argc, argv, std::cout); }
