#pragma once
// The name and value dialog of the Variables window's Add and Edit commands. OK closes it
// only while both boxes hold text and the name holds no "="; otherwise it stays open.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vexmo {

class TFrmEnterValue : public QDialog {
    Q_OBJECT

  public:
    // `language` chooses the labels: 1 English, anything else Japanese.
    explicit TFrmEnterValue(int language, QWidget* parent = nullptr);

    void SetName(const QString& name);
    void SetValue(const QString& value);
    QString Name() const;
    QString Value() const;

    QLineEdit* EditName = nullptr;
    QLineEdit* EditValue = nullptr;
    QLabel* LblName = nullptr;
    QLabel* LblValue = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

  public slots:
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace vexmo
