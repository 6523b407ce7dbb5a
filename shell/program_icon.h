#pragma once
#include <QIcon>

// The program's own icon, built into it: shown for games without an icon of their own.
QIcon ProgramIcon();
