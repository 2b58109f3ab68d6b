#include "mainwindow/application.h"

int main(int argc, char* argv[]) { return runTessamail(argc, argv); }
