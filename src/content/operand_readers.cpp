#include "content/operand_readers.h"

namespace zvk {

namespace {

std::string not_a(std::size_t index, const char* what) {
    return "operand " + std::to_string(index) + " is not " + what;
}

}  // namespace

OperandResult<const std::string*> operand_name(const OperandList& operands, std::size_t index) {
    const Operand* op = operands.at(index);
    const OperandName* name = op ? op->name() : nullptr;
    if (!name) return std::unexpected(not_a(index, "a name"));
    return &name->text;
}

OperandResult<const std::string*> operand_string(const OperandList& operands, std::size_t index) {
    const Operand* op = operands.at(index);
    const std::string* bytes = op ? op->string() : nullptr;
    if (!bytes) return std::unexpected(not_a(index, "a string"));
    return bytes;
}

OperandResult<const std::vector<Operand>*> operand_array(const OperandList& operands,
                                                         std::size_t index) {
    const Operand* op = operands.at(index);
    const std::vector<Operand>* items = op ? op->array() : nullptr;
    if (!items) return std::unexpected(not_a(index, "an array"));
    return items;
}

OperandResult<float> operand_number(const OperandList& operands, std::size_t index) {
    const Operand* op = operands.at(index);
    const float* v = op ? op->number() : nullptr;
    if (!v) return std::unexpected(not_a(index, "a number"));
    return *v;
}

NumberOperands collect_number_operands(const OperandList& operands) {
    return {operands.leading_numbers(), operands.number_count()};
}

}  // namespace zvk
