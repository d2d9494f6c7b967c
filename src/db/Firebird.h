#pragma once
// The whole client layer: the library, an attachment, its transactions and statements, and
// the exact decimal they exchange. A file that needs one of them includes that one alone.
#include "db/Client.h"
#include "db/Database.h"
#include "db/Decimal.h"
#include "db/Query.h"
#include "db/Transaction.h"
