// CTavExchg operations (placeholder: the implementation lands with the exchange work).
#include "exchange/tav_exchg.h"

CTavExchg::~CTavExchg() = default;
