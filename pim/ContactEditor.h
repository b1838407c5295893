#pragma once
// The contact editor: a modal form that adds a contact (870103) or changes one (870104, after
// reading it with 870102). What the form saves is decided by ContactForm's save rules; this class
// is the window around them.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/Page.h"
#include "app/Window.h"
#include "pim/Contact.h"
#include "pim/ContactForm.h"

namespace zorvik {

class ContactEditor : public Dialog {
public:
  // Add mode when addMode; otherwise the contact `contactId` is loaded when the form opens.
  ContactEditor(PageHost& host, bool addMode, int32_t contactId = 0);

  // IDOK after a save (also when the phone could not be reached), IDCANCEL otherwise.
  INT_PTR run(HWND parent) { return runModal(parent); }

  // The form as the controls hold it, and back; for the window and for tests.
  ContactForm readForm() const;
  void showForm(const ContactForm& form);
  // Runs the save of the current mode: false (form stays open) when the form was refused.
  bool save();
  const ContactCard& loadedCard() const { return loaded_; }

private:
  void fillDropDowns();
  void loadCard();

  PageHost& host_;
  bool addMode_;
  int32_t contactId_;
  ContactCard loaded_;
};

}  // namespace zorvik
