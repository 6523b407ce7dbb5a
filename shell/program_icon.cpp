#include "shell/program_icon.h"

#include <QString>

// The icon's pictures live in a static library; naming its initialiser keeps them linked.
static void InitIconResource() {
    Q_INIT_RESOURCE(velmor_icons);
}

QIcon ProgramIcon() {
    static const QIcon icon = [] {
        InitIconResource();
        QIcon made;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            made.addFile(QStringLiteral(":/velmor/velmor-%1.png").arg(size), QSize(size, size));
        return made;
    }();
    return icon;
}
