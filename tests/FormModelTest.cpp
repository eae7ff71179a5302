// The in-memory form of the command line keeps the window interface's contract.
#include "FormContract.h"
#include "operator/Design.h"
#include "operator/FormModel.h"

namespace bpconf::test {
namespace {

struct InMemoryForm {
    InMemoryForm() { op::ApplyDesign(model); }
    op::IForm& Form() { return model; }
    op::FormModel model;
};

INSTANTIATE_TYPED_TEST_SUITE_P(InMemory, FormContract, InMemoryForm);

}  // namespace
}  // namespace bpconf::test
