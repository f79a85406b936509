#include "OSDependFactory.h"

#include "OSDependDelayExecution.h"
#include "OSDependTimeOut.h"

#include <new>

tmIOSDependDelayExecution* COSDependFactory::tmICreateDelayExecution()
{
    return new (std::nothrow) tmCOSDependDelayExecution();
}

tmIOSDependTimeOut* COSDependFactory::tmICreateTimeOut()
{
    return new (std::nothrow) tmCOSDependTimeOut();
}
