#include "Start.h"

int main(int argc, char** argv) { return sondrel::app::RunSondrel(argc, argv); }
