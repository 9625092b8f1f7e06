#pragma once
// The console calls this when it opens a teacher.mdb: a file written before
// passwords were hashed still holds them as plain text.
#include "common/db/database.h"

namespace kav::account {

// Replaces every password of `user` that is not yet a hash with its hash and
// returns how many it replaced. An empty password stays empty (it admits no
// one). Secure delete is turned on for the connection first and the write-ahead
// log is emptied afterwards, so that neither the freed space of the file nor
// the log keeps an old password. Engine errors are DbError.
int hashPlainPasswords(db::Connection& teacher);

}  // namespace kav::account
