// The program's own start-up, as main.cpp runs it.
#include "mainwindow/application.h"

int main(int argc, char* argv[]) {
    return runTessamail(argc, argv);
}
