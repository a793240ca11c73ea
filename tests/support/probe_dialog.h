// A dialog over a module template that runs a probe once it is open and then
// closes itself, on either backend: for tests of controls on a live dialog.
#ifndef WARDEN_TESTS_SUPPORT_PROBE_DIALOG_H
#define WARDEN_TESTS_SUPPORT_PROBE_DIALOG_H

#include <functional>
#include <utility>

#include "ui/ui.h"

namespace warden::testing {

class ProbeDialog : public ui::Dialog {
 public:
  ProbeDialog(std::uint16_t id, std::function<void(ProbeDialog&)> probe)
      : Dialog(id, nullptr), probe_(std::move(probe)) {}
  using Dialog::On;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    probe_(*this);
    EndDialog(ui::kIdOk);
    return true;
  }

 private:
  std::function<void(ProbeDialog&)> probe_;
};

}  // namespace warden::testing

#endif
