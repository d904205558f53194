#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

struct StrobeData;

// How a unit's block in the navigation grid looks: its fonts, measured when a unit first
// needs them (the grid starts empty), its title, and what its status cell says in which
// colours.
class CUnitBlockLook {
public:
    // The status cell: the unit's levels while it works normally, in the title's font, else
    // one word of what is wrong in the big font on grey; the current block's on blue.
    struct Status {
        QString text;
        bool normal = false;
        QColor back;
        QColor textColor;
    };

    static Status StatusOf(const StrobeData& unit, bool current);
    // It answers, its flash is on and it is not overheated: the cell shows its levels.
    static bool WorksNormally(const StrobeData& unit);
    static QString NormalStatusText(const StrobeData& unit);
    static QString TitleText(const StrobeData& unit);

    const QFont& TitleFont() const;
    const QFont& BigFont() const;

private:
    mutable std::optional<QFont> m_titleFont;
    mutable std::optional<QFont> m_bigFont;
};
