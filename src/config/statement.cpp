#include "config/statement.h"

void clearEntry(SequenceEntry& entry) { entry = SequenceEntry{}; }

void clearStatement(Statement& statement) { statement = Statement{}; }
