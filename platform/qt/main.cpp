#include "app/Program.h"
#include "platform/qt/QtDesktop.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    autorun::qt::QtDesktop desktop;
    return autorun::RunAutorun(desktop);
}
