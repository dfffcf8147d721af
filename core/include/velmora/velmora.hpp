#pragma once

// The whole public API of the velmora core: parse a 1CClientBankExchange
// statement into its model, with optional section hooks, write a model back
// out in any of the format's encodings, and check it.

#include "velmora/checks/check_digits.hpp"
#include "velmora/checks/statement_checks.hpp"
#include "velmora/document_sink.hpp"
#include "velmora/dos_input.hpp"
#include "velmora/model/attribute_map.hpp"
#include "velmora/model/date.hpp"
#include "velmora/model/decimal.hpp"
#include "velmora/model/document.hpp"
#include "velmora/model/document_attribute_order.hpp"
#include "velmora/model/document_members.hpp"
#include "velmora/model/encoding.hpp"
#include "velmora/model/exchange_keys.hpp"
#include "velmora/model/fields.hpp"
#include "velmora/model/interval.hpp"
#include "velmora/model/statement.hpp"
#include "velmora/model/warning.hpp"
#include "velmora/parse_error.hpp"
#include "velmora/parse_observer.hpp"
#include "velmora/parse_statement.hpp"
#include "velmora/section_hook.hpp"
#include "velmora/writer/exchange_writer.hpp"
#include "velmora/writer/write_options.hpp"
#include "velmora/writer/write_orders.hpp"
#include "velmora/writer/write_statement.hpp"
