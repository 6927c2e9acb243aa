// QV-410SettingTool: the settings program of the QV-410 label printer.
#include "app/startup.h"

int main(int argc, char** argv) {
    return app::winMain(argc, argv);
}
