#pragma once
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <cmath>

// Lengths of the user interface are designed in twips (1440 per inch). This is the one conversion.
namespace twips {
inline double Dpi() {
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : 96.0;
}
inline int APixeles(int tw) { return int(std::lround(tw * Dpi() / 1440.0)); }
inline int ATwips(int px) { return int(std::lround(px * 1440.0 / Dpi())); }
inline QRect APixeles(const QRect &r) {
    return QRect(APixeles(r.x()), APixeles(r.y()), APixeles(r.width()), APixeles(r.height()));
}
} // namespace twips
