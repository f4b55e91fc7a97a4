#pragma once

#include <QLineEdit>

// The link as one line of selectable text: shortened in the middle while it does not have the focus,
// whole once the user clicks into it to select.
class ChampLien final : public QLineEdit {
    Q_OBJECT

public:
    explicit ChampLien(const QString& lien, QWidget* parent = nullptr);

    QString lien() const { return m_lien; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void focusInEvent(QFocusEvent* evenement) override;
    void focusOutEvent(QFocusEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    void afficher();

    QString m_lien;
};
