#pragma once

#include <QList>
#include <QRectF>
#include <QVariant>
#include <QWidget>

#include <utility>

class QVariantAnimation;

// A row of mutually exclusive choices; the selected one is a filled pill that slides to its place.
class ValtoSegmented final : public QWidget {
    Q_OBJECT

public:
    enum class Taille { normal, small };
    using Option = std::pair<QVariant, QString>;

    explicit ValtoSegmented(const QList<Option>& options, Taille taille = Taille::normal,
                            QWidget* parent = nullptr);

    QVariant selection() const { return m_selection; }
    // Equal values change nothing and emit nothing.
    void setSelection(const QVariant& selection);
    const QList<Option>& options() const { return m_options; }

    // Where segment `index` lies, in the control's coordinates.
    QRectF zoneSegment(qsizetype index) const;
    // -1 when the selection is none of the options.
    qsizetype indexSelectionne() const;
    void choisir(qsizetype index);
    bool anneauVisible() const { return hasFocus() && m_focusClavier; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void selectionChangee(const QVariant& selection);

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;
    void focusInEvent(QFocusEvent* evenement) override;
    void focusOutEvent(QFocusEvent* evenement) override;

private:
    QFont police() const;

    QList<Option> m_options;
    Taille m_taille;
    QVariant m_selection;
    QRectF m_pastille;
    QVariantAnimation* m_glissement;
    bool m_focusClavier = false;
};
