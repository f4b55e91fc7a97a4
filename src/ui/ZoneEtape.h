#pragma once

#include <QPointer>
#include <QWidget>

class QVBoxLayout;

// The step area: holds one screen at a time; a new step's screen replaces the old one with a short fade.
class ZoneEtape final : public QWidget {
    Q_OBJECT

public:
    static constexpr int dureeFondu = 220;

    explicit ZoneEtape(QWidget* parent = nullptr);

    QWidget* ecran() const { return m_ecran; }
    enum class Passage { fondu, immediat };
    // Takes ownership of `ecran`. The old screen is deleted once control returns to the event loop,
    // since the change may come from one of its own callbacks.
    void afficher(QWidget* ecran, Passage passage = Passage::fondu);

private:
    void fondre(const QPixmap& ancien, const QRect& zone);

    QVBoxLayout* m_colonne;
    QPointer<QWidget> m_ecran;
};
