#include "host/CZebCalendarGenerator.h"

CZebCalendarGenerator::~CZebCalendarGenerator() = default;

void CZebCalendarGenerator::reserved() {}
