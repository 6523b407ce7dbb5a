// velmor-rcgen: draws the resource library's pictures and writes them, with the about
// document, into a C++ source that the VELMORRC.DLL target compiles.
//   velmor-rcgen OUTPUT.cpp [PREVIEW_FOLDER]
//   velmor-rcgen --icons FOLDER      the program's icon as velmor-SIZE.png and velmor.qrc
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "rc/generator/encode.h"
#include "rc/generator/pictures.h"

using namespace rcgen;

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

void Preview(const QString& folder, const std::string& name, const QImage& image) {
    if (folder.isEmpty()) return;
    image.save(folder + "/" + QString::fromStdString(name) + ".png", "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmor-rcgen OUTPUT.cpp [PREVIEW_FOLDER]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!LoadFonts()) {
        std::fprintf(stderr, "velmor-rcgen: the IPA Gothic fonts (fonts-ipafont-gothic) are not installed\n");
        return 1;
    }
    if (std::string(argv[1]) == "--icons") {
        if (argc < 3) return 2;
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder);
        QString qrc = QStringLiteral("<RCC>\n<qresource prefix=\"/velmor\">\n");
        for (int size : kIconSizes) {
            const QString name = QStringLiteral("velmor-%1.png").arg(size);
            if (!ProgramIcon(size).save(folder + "/" + name, "PNG")) {
                std::fprintf(stderr, "velmor-rcgen: cannot write %s\n", qPrintable(name));
                return 1;
            }
            qrc += QStringLiteral("<file>%1</file>\n").arg(name);
        }
        qrc += QStringLiteral("</qresource>\n</RCC>\n");
        QFile file(folder + "/velmor.qrc");
        if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0) return 1;
        return 0;
    }
    const QString preview = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (!preview.isEmpty()) QDir().mkpath(preview);

    std::vector<Resource> out;
    auto bitmap = [&](const std::string& name, const QImage& image) {
        Preview(preview, name, image);
        out.push_back({name, "BITMAP", EncodeBmp24(image)});
    };

    bitmap("IDB_KABEGAMI", Wallpaper());

    const QColor menuGround = QColor::fromRgb(palette::kMenuGround);
    const QColor purple = QColor::fromRgb(palette::kPurpleKey);
    const char* menuIcons[] = {"MESSWINDOW", "SKIP", "AUTOPLAY", "SAVE",  "RETURN", "OPTION", "LOG",
                               "SNAP",       "EXIT", "NEW",      "LOAD", "DELETE", "EJECT",  "REWRITE"};
    for (const char* icon : menuIcons) {
        bitmap(std::string("IDB_MI_") + icon, FlattenKeyed(MenuIcon(icon), menuGround, purple, 72));
    }

    bitmap("IDB_IMAGEBUTTON_OK0", DialogButton(true, false));
    bitmap("IDB_IMAGEBUTTON_CANCEL0", DialogButton(false, false));
    bitmap("IDB_IMAGEBUTTON_OK1", DialogButton(true, true));
    bitmap("IDB_IMAGEBUTTON_CANCEL1", DialogButton(false, true));

    for (int step = 0; step < 8; ++step) {
        bitmap("IDB_SANDSTORM_B" + std::to_string(step), SandPattern(step, false));
        bitmap("IDB_SANDSTORM_W" + std::to_string(step), SandPattern(step, true));
    }

    const QImage window = MessageWindow();
    Preview(preview, "IDP_WINDOW_MESSAGE", window);
    out.push_back({"IDP_WINDOW_MESSAGE", "PNG", EncodePng(window.convertToFormat(QImage::Format_ARGB32))});

    bitmap("IDB_CGMODE_BACK", GalleryBackground());
    bitmap("IDB_CGMODE_NEVERSEEN", NeverSeen());
    const QColor galleryGround(0x1E, 0x23, 0x33);
    for (const char* kind : {"EXIT", "PREV", "NEXT"}) {
        for (int pressed = 0; pressed < 2; ++pressed) {
            const std::string name = std::string("IDR_CGMODE_BUTTON_") + kind + std::to_string(pressed);
            const QImage button = GalleryButton(kind, pressed != 0);
            Preview(preview, name, FlattenKeyed(button, galleryGround, QColor(0, 0, 0), 96));
            out.push_back({name, "VPP", EncodeVpp(button, galleryGround)});
        }
    }

    bitmap("IDB_VELMOR_TITLE", TitlePicture());
    out.push_back({"IDR_VELMOR_COPYRIGHT_DOC", "RICHTEXT", AboutDocument()});

    if (!WriteSource(argv[1], out)) {
        std::fprintf(stderr, "velmor-rcgen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
