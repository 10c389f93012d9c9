#include "program.h"

#include <QCoreApplication>

#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"

namespace sorane {

Program::Program()
    : form1_(std::make_unique<Form1>(*this)), endHandler_([] { QCoreApplication::exit(0); }) {}

Program::~Program() {
  ctl_.reset();
  option_.reset();
  form1_.reset();
}

frmOption& Program::option() {
  if (!option_) {
    option_ = std::make_unique<frmOption>(*this);
    option_->Form_Load();
  }
  return *option_;
}

frmCtl& Program::ctl() {
  if (!ctl_) {
    ctl_ = std::make_unique<frmCtl>(*this);
    ctl_->Form_Load();
  }
  return *ctl_;
}

void Program::start() {
  form1_->Form_Load();
  form1_->show();
}

void Program::end() {
  if (ended_) return;
  ended_ = true;
  if (ctl_) ctl_->hide();
  if (option_) option_->hide();
  form1_->hide();
  if (endHandler_) endHandler_();
}

}  // namespace sorane
