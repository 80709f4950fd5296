#include "app/StartUp.h"

int main(int argc, char** argv) { return RunControlPanel(argc, argv); }
