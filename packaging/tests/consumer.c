/* A program built against the installed library: asks the simulated printer for its type. */
#include <stdio.h>
#include <stdlib.h>

#include <QVSettingToolDll.h>

int main(void) {
    QVWCHAR type[QV_PRINTER_TEXT_LEN] = {0};
    setenv("QV410_DEVICE", "simulator", 1);
    if (!QVGetPrinterType(type)) {
        fprintf(stderr, "error %d\n", (int)BaseGetQVError());
        return 1;
    }
    for (int i = 0; i < QV_PRINTER_TEXT_LEN && type[i] != 0; ++i) {
        putchar(type[i] < 0x80 ? (int)type[i] : '?');
    }
    putchar('\n');
    return 0;
}
