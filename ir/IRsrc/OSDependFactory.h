#pragma once
#include "tmIOSDepend.h"

// Stateless; callers own and delete what it creates.
class COSDependFactory final : public tmIOSDependFactory {
public:
    tmIOSDependDelayExecution* tmICreateDelayExecution() override;
    void* tmICreateReserved1() override { return nullptr; }
    tmIOSDependTimeOut* tmICreateTimeOut() override;
    void* tmICreateReserved3() override { return nullptr; }
    void* tmICreateReserved4() override { return nullptr; }
    void* tmICreateReserved5() override { return nullptr; }
    void* tmICreateReserved6() override { return nullptr; }
    void* tmICreateReserved7(void*) override { return nullptr; }
};
