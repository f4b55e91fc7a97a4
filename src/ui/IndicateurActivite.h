#pragma once

#include <QWidget>

class QVariantAnimation;

// The small spinning activity indicator: an open arc in the strong fill colour that turns while shown.
class IndicateurActivite final : public QWidget {
    Q_OBJECT

public:
    explicit IndicateurActivite(int cote, QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(m_cote, m_cote); }

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    void hideEvent(QHideEvent* evenement) override;

private:
    int m_cote;
    QVariantAnimation* m_rotation;
};
