#pragma once
// The Options dialog with Japanese captions; layout and behaviour are TFrmOptions'.

#include "files/Options.h"

namespace vexmo {

class TFrmOptionsJ : public TFrmOptions {
    Q_OBJECT
  public:
    explicit TFrmOptionsJ(QWidget* parent = nullptr);
};

}  // namespace vexmo
