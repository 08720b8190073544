#include "ProductInfo.h"

#include "winapi/Gbk.h"

const AnsiString& ProductWebAddress() {
    static const AnsiString address = "https://www.talvimo.com/";
    return address;
}

const AnsiString& ProductPublisher() {
    static const AnsiString publisher = gbk::Literal("Talvimo 网络科技有限公司");
    return publisher;
}

AnsiString SetupTitle() {
    return gbk::Literal("Talvimo安装向导");
}
