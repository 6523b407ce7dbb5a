#pragma once
// The headless runner as a test runs it: its own data home, the JSON events it printed.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>
#include <vector>

#include "platform/bitmap.h"

struct RunnerRun {
    int status = -1;  // -1 when it did not finish in time
    std::string err;
    std::vector<QJsonObject> events;
};

inline RunnerRun RunRunner(const QStringList& args, const std::string& dataHome) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(dataHome));
    p.setProcessEnvironment(env);
    p.start(QString(VELMOR_BINARY_DIR) + "/bin/velmor-headless", args);
    RunnerRun run;
    if (p.waitForFinished(120000)) run.status = p.exitCode();
    run.err = p.readAllStandardError().toStdString();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) run.events.push_back(QJsonDocument::fromJson(line).object());
    return run;
}

// A picture of one colour, the columns from split on in another.
inline bool WriteSplitPicture(const std::string& path, int w, int h, uint32_t colour,
                              int split = -1, uint32_t right = 0) {
    platform::Bitmap b;
    b.SetFormat(w, h, 32);
    b.Fill(colour);
    for (int y = 0; split >= 0 && y < h; ++y)
        for (int x = split; x < w; ++x) b.SetPixel(x, y, right);
    return b.SavePng(path);
}
