#pragma once

#include <QDialog>

// Asks before a transfer is deleted on the server; cancelling is the default.
class ConfirmationSuppression final : public QDialog {
    Q_OBJECT

public:
    ConfirmationSuppression(const QString& titreTransfert, QWidget* parent);

    static QString titre(const QString& titreTransfert);

protected:
    void paintEvent(QPaintEvent* evenement) override;
};
