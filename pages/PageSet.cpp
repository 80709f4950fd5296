#include "pages/PageSet.h"

#include "pages/UnitButton.h"
#include "pages/UnitGsensor.h"
#include "pages/UnitHSMC.h"
#include "pages/UnitIR.h"
#include "pages/UnitLCD.h"
#include "pages/UnitLED.h"
#include "pages/UnitMemory.h"
#include "pages/UnitRS232.h"
#include "pages/UnitSDCARD.h"
#include "pages/UnitSeg7.h"
#include "pages/UnitVGA.h"

TPage* CreatePage(int index, QWidget* parent)
{
    switch (index) {
    case PAGE_LED:
        return new TFormLED(parent);
    case PAGE_SEG7:
        return new TFormSeg7(parent);
    case PAGE_BUTTON:
        return new TFormButton(parent);
    case PAGE_LCD:
        return new TFormLCD(parent);
    case PAGE_MEMORY:
        return new TFormMemory(parent);
    case PAGE_SDCARD:
        return new TFormSDCARD(parent);
    case PAGE_GSENSOR:
        return new TFormGsensor(parent);
    case PAGE_RS232:
        return new TFormRS232(parent);
    case PAGE_IR:
        return new TFormIR(parent);
    case PAGE_HSMC:
        return new TFormHSMC(parent);
    case PAGE_VGA:
        return new TFormVGA(parent);
    default:
        return nullptr;
    }
}
