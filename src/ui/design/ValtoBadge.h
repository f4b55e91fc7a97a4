#pragma once

#include <QWidget>

// A short status tag in spaced capitals, coloured by its tone.
class ValtoBadge final : public QWidget {
    Q_OBJECT

public:
    enum class Tone { neutral, success, warning, danger, progress, strong, muted };

    explicit ValtoBadge(const QString& texte, Tone tone = Tone::neutral, const QString& systemImage = {},
                        QWidget* parent = nullptr);

    QString texte() const { return m_texte; }
    void setTexte(const QString& texte);
    Tone tone() const { return m_tone; }
    void setTone(Tone tone);

    struct Teintes {
        QColor texte;
        QColor fond;
        QColor bordure;
    };
    // The colours of a tone in the current appearance.
    static Teintes teintes(Tone tone);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    QString m_texte;
    Tone m_tone;
    QString m_systemImage;
};
