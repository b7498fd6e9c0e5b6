#include "mml/one_shot.h"
#include "mml/registers.h"
#include "store/track.h"

void MMpin_take(mmctx *, mmpart *part, MMnoteShots *shots)
{
    if (part->pinArmed && part->pinDef)
        for (const RegisterItem *item = part->pinDef->items; item; item = item->next)
            MMnote_pinItem(part, shots, item->kind, &item->value);
    part->pinArmed = 0;
}
