#include "app/Application.h"

int main(int argc, char** argv) { return kestrin::RunKestrin(argc, argv); }
