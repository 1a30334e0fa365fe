// The sizes dialog: adds, changes and removes the user's output sizes. The
// list and its refusals are OutputSizeList's; this dialog shows them and
// reads the fields.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "workflow/OutputSizeList.h"

namespace pictorel {

class OutputSizesDialog : public QDialog {
    Q_OBJECT
  public:
    OutputSizesDialog(std::vector<OutputSize> sizes, QWidget* parent = nullptr);

    // The list as the user leaves it.
    const std::vector<OutputSize>& Sizes() const { return list_.Sizes(); }
    // The size the fields describe.
    OutputSize FieldsSize() const;

    QListWidget* sizeList;
    QLineEdit* nameEdit;
    QComboBox* shapeCombo;  // 長辺 or 枠（幅×高さ）
    QSpinBox* sideSpin;     // the longer side, or the box's width
    QSpinBox* heightSpin;   // the box's height
    QSpinBox* qualitySpin;
    QCheckBox* capCheck;
    QSpinBox* capSpin;
    QLabel* problemLabel;
    QPushButton* addButton;
    QPushButton* changeButton;
    QPushButton* removeButton;
    QPushButton* closeButton;

  public slots:
    void AddSize();
    void ChangeSize();
    void RemoveSize();

  private:
    void ShowList(int current);
    void ShowFields(int row);
    void ShowProblem(const std::string& problem);

    OutputSizeList list_;
};

}  // namespace pictorel
