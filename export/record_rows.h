// The table rows of the contacts, call-history and notes documents: one "<tr>" line per
// record, every value escaped.
#pragma once

#include <string>

#include "sqlite_recovery/records.h"

namespace vesmar {

// Name, phones (one line each, joined by "<br />"), e-mails, address, home page, social
// profile, company.
std::string ContactRow(const ContactRecord& contact);
// Name, number, date, "Incoming"/"Outgoing", duration text.
std::string CallRow(const CallRecord& call);
// Title, date, note text.
std::string NoteRow(const NoteRecord& note);

}  // namespace vesmar
