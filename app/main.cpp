// The program's entry point: the Qt application around the one CLarkspur32App.
#include "shell/Larkspur32.h"

#include <QApplication>

#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CLarkspur32App larkspur(std::vector<std::string>(argv + 1, argv + argc));
    if (!larkspur.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}
