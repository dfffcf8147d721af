#pragma once

#include <optional>
#include <string>
#include <vector>

#include "velmora/checks/statement_checks.hpp"
#include "velmora/model/date.hpp"

namespace velmora {

// The checks of one family each; they append findings in the order found
// and check_statement sorts them.
void check_balances(const Statement &statement, std::vector<Finding> &out);  // balance, continuity
void check_turnovers(const Statement &statement, std::vector<Finding> &out); // turnover
void check_identifiers(const Statement &statement, std::vector<Finding> &out);    // inn .. account
void check_document_dates(const Statement &statement, std::vector<Finding> &out); // period, dates
void check_duplicates(const Statement &statement, std::vector<Finding> &out);     // duplicate

// The calendar day after `date`; none after the last representable day.
std::optional<Date> next_day(const Date &date);

} // namespace velmora
