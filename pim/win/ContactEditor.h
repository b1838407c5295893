#pragma once
// The contact editor: a modal form that adds a contact (870103) or changes one (870104, after
// reading it with 870102). What the form saves is decided by ContactForm's save rules; this class
// is the window around them.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "ui/Window.h"
#include "devlink/AgentSession.h"
#include "pim/Contact.h"
#include "pim/ContactForm.h"

namespace zorvik {

class ContactEditor : public Dialog {
public:
  // Add mode when addMode; otherwise the contact `contactId` is loaded when the form opens.
  // The exchange still running when the form goes (cancelled while reading or saving) ends with
  // it: its PageWork stops.
  ContactEditor(PageHost& host, bool addMode, int32_t contactId = 0);

  // IDOK after a save the phone answered, IDCANCEL otherwise.
  INT_PTR run(HWND parent) { return runModal(parent); }

  // The form as the controls hold it (in UTF-8, read in Unicode), and back; for the window and for
  // tests.
  ContactForm readForm() const;
  void showForm(const ContactForm& form);
  // Starts the save of the current mode on a worker; the form closes with IDOK once the phone
  // answered, and stays open with the reason otherwise. False (nothing sent) when the form was
  // refused: an empty name, or in modify mode a card that was never read whole.
  bool save();
  const ContactCard& loadedCard() const { return loaded_; }
  // Modify mode: the card arrived whole and the form shows it; only then can the form save.
  bool cardRead() const { return cardRead_; }
  // The card is being read or the save is running (busy cursor, "保存" disabled).
  bool working() const { return loading_ || saving_; }

private:
  void fillDropDowns();
  void loadCard();
  void cardLoaded(AgentResult result, ContactCard& card);
  void saved(AgentResult result);
  void updateSaveButton();
  void setStatus(const char* text);

  PageHost& host_;
  bool addMode_;
  int32_t contactId_;
  ContactCard loaded_;
  bool cardRead_ = false;
  bool loading_ = false;
  bool saving_ = false;
  PageWork work_;
};

}  // namespace zorvik
