#include "data/operator_record.h"

namespace movra {

TOperator Operator;

}  // namespace movra
