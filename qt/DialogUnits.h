#pragma once
// Dialog templates are laid out in dialog units: a horizontal unit is a
// quarter of the dialog font's average character width, a vertical unit an
// eighth of its height. Converting with the font the dialog really uses keeps
// the proportions of the templates on any screen.
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace remorra {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics fm(font);
        // The average width of the 52 Latin letters, as the system measures
        // a dialog font's base unit.
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_baseX = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
        m_baseY = fm.height();
        if (m_baseX <= 0) m_baseX = 6;
        if (m_baseY <= 0) m_baseY = 13;
    }
    int x(int du) const { return du * m_baseX / 4; }
    int y(int du) const { return du * m_baseY / 8; }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(x(left), y(top), x(width), y(height));
    }
    // Places a child at template coordinates.
    void place(QWidget* w, int left, int top, int width, int height) const {
        w->setGeometry(rect(left, top, width, height));
    }
    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

private:
    int m_baseX = 6;
    int m_baseY = 13;
};

} // namespace remorra
