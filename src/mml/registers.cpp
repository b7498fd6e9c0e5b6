// The register commands. All three share one form after the command
// character: an optional register number (1 and up; none means register 0),
// then either `(item, ...)`, which defines the register, or nothing, which
// applies it. Defining register 0 applies it at once.
#include "mml/registers.h"

#include <new>
#include <string>

#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/part_params.h"
#include "mml/register_items.h"
#include "store/param_table.h"

namespace {

int applySetter(mmctx *ctx, mmpart *part, Setter *setter);
int applyOffsetter(mmpart *part, Offsetter *offsetter);

// What differs between the three kinds of register.
template <class R> struct Kind;

template <> struct Kind<Setter> {
    static constexpr MMregKind kind = MMregKind::Setter;
    static constexpr int32_t work = MM_SETTER_WORK;
    static constexpr MMmsgId commandError = MSG_SETTER_COMMAND;
    static constexpr MMmsgId unknown = MSG_UNKNOWN_SETTER;
    static Setter **chains(mmpart *part) { return part->setters; }
    static void define(mmpart *part, Setter *setter) { part->setter = setter; }
    static int apply(mmctx *ctx, mmpart *part, Setter *setter) { return applySetter(ctx, part, setter); }
};

template <> struct Kind<Offsetter> {
    static constexpr MMregKind kind = MMregKind::Offsetter;
    static constexpr int32_t work = MM_SETTER_WORK;
    static constexpr MMmsgId commandError = MSG_OFFSETTER_COMMAND;
    static constexpr MMmsgId unknown = MSG_UNKNOWN_OFFSETTER;
    static Offsetter **chains(mmpart *part) { return part->offsetters; }
    static void define(mmpart *part, Offsetter *offsetter) { part->offsetter = offsetter; }
    static int apply(mmctx *, mmpart *part, Offsetter *offsetter) { return applyOffsetter(part, offsetter); }
};

template <> struct Kind<Pin> {
    static constexpr MMregKind kind = MMregKind::Pin;
    static constexpr int32_t work = MM_PIN_WORK;
    static constexpr MMmsgId commandError = MSG_PIN_COMMAND;
    static constexpr MMmsgId unknown = MSG_UNKNOWN_PIN;
    static Pin **chains(mmpart *part) { return part->pins; }
    // A pin being defined is disarmed until it is armed again.
    static void define(mmpart *part, Pin *pin)
    {
        part->pinArmed = 0;
        pin->armed = 0;
        part->pinDef = pin;
    }
    // Arming: the next note command takes the pin's items.
    static int apply(mmctx *, mmpart *part, Pin *pin)
    {
        pin->armed = 1;
        part->pinDef = pin;
        part->pinArmed = 1;
        return 0;
    }
};

// Register n lives in chain (16 - n mod 16) mod 16.
unsigned chainOf(int32_t number) { return (0u - (uint32_t)number) % MM_REGISTER_CHAINS; }

template <class R> R *findRegister(R **chains, int32_t number)
{
    for (R *r = chains[chainOf(number)]; r; r = r->next)
        if (r->number == number) return r;
    return nullptr;
}

template <class R> R *createRegister(mmctx *ctx, R **chains, int32_t number)
{
    R *r = new (std::nothrow) R{};
    if (!r) return nullptr;
    ctx->workSize += Kind<R>::work;
    r->number = number;
    R *&chain = chains[chainOf(number)];
    r->next = chain;
    chain = r;
    return r;
}

// The command error of a kind; `item` names the faulty item, null when the
// fault lies before the items.
template <class R> int commandError(mmctx *ctx, const char *cursor, const char *item)
{
    ctx->errPoint = cursor;
    if (item) MM_setErrMsg(ctx, MM_text(Kind<R>::commandError), (" '" + std::string(item) + "'").c_str());
    else MM_setErrMsg(ctx, MM_text(Kind<R>::commandError), "");
    return -1;
}

// True when the list opening at `open` has its `)` on the line. The argument
// splitter gives no items both for `()` and for a list left open; only the
// first is an empty definition.
bool listClosed(const char *open)
{
    int depth = 0;
    for (const char *p = open; *p; ++p) {
        if (*p == '(') ++depth;
        else if (*p == ')' && --depth == 0) return true;
    }
    return false;
}

// Reads the items of `(item, ...)` at the cursor into the register, in order.
// Items read before a faulty one stay in the register.
template <class R> int defineItems(mmctx *ctx, mmpart *part, R *reg, const char **cursor)
{
    bool closed = listClosed(*cursor);
    char **args = nullptr;
    int count = MM_splitList(cursor, &args);
    if (!closed) return commandError<R>(ctx, *cursor, nullptr);
    RegisterItem **tail = &reg->items;
    int result = 0;
    for (int i = 0; i < count && result == 0; ++i) {
        RegisterItem parsed{};
        switch (MMreg_readItem(part, Kind<R>::kind, args[i], &parsed)) {
        case MMitemResult::Ok: {
            RegisterItem *item = new (std::nothrow) RegisterItem(parsed);
            if (!item) {
                result = MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
                break;
            }
            ctx->workSize += MM_REGITEM_WORK;
            *tail = item;
            tail = &item->next;
            break;
        }
        case MMitemResult::Bad: result = commandError<R>(ctx, *cursor, args[i]); break;
        case MMitemResult::TempoOutsideCtrl:
            ctx->errPoint = *cursor;
            result = MM_setErr(ctx, MM_text(MSG_TEMPO_WITHOUT_CTRL));
            break;
        }
    }
    MM_freeList(count, args);
    return result;
}

// A failing application points at the end of the command.
template <class R> int applyAt(mmctx *ctx, mmpart *part, R *reg, const char *cursor)
{
    if (Kind<R>::apply(ctx, part, reg) == 0) return 0;
    ctx->errPoint = cursor;
    return -1;
}

template <class R> int registerCommand(mmctx *ctx, mmpart *part, const char **cursor)
{
    int32_t number = 0;
    bool numbered = **cursor >= '0' && **cursor <= '9';
    if (numbered && (MM_getNum(&number, cursor) < 0 || number < 1))
        return commandError<R>(ctx, *cursor, nullptr);
    R **chains = Kind<R>::chains(part);
    R *reg = findRegister(chains, number);
    if (**cursor != '(') {
        if (!reg) {
            ctx->errPoint = *cursor;
            MM_setErrMsg(ctx, MM_text(Kind<R>::unknown), number);
            return -1;
        }
        return applyAt(ctx, part, reg, *cursor);
    }
    if (reg) {
        MMpart_freeItems(ctx, reg->items);
    } else if (!(reg = createRegister(ctx, chains, number))) {
        ctx->errPoint = *cursor;
        return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
    }
    Kind<R>::define(part, reg);
    if (defineItems(ctx, part, reg, cursor) < 0) return -1;
    // An empty list only empties the register.
    if (number != 0 || !reg->items) return 0;
    return applyAt(ctx, part, reg, *cursor);
}

int applySetterItem(mmctx *ctx, mmpart *part, const RegisterItem &item, uint32_t time)
{
    mmval value = item.value;
    if (item.kind >= MMI_CONTROL) return MMpart_setControl(ctx, part, &value, time, item.kind - MMI_CONTROL);
    switch (item.kind) {
    case MMI_TEMPO: return MMpart_setTempo(ctx, part, &value, time);
    case MMI_CHANNEL: MMpart_setChannel(part, (uint32_t)MMwrap_sub(MMval_get(&value), 1)); return 0;
    case MMI_PROGRAM: return MMpart_setProgram(ctx, part, &value, time);
    case MMI_PITCH: return MMpart_setPitch(ctx, part, &value, time);
    case MMI_CAF: return MMpart_setCaf(ctx, part, &value, time);
    case MMI_PAF:
        if (part->lastNote < 0) {
            MM_setErrMsg(ctx, MM_text(MSG_SETTER_COMMAND), "");
            return -1;
        }
        return MMpart_setPaf(ctx, part, &value, time, part->lastNote);
    default: return MMpart_setParam(ctx, part, MMparam_ofItem(item.kind), &value);
    }
}

// Every item goes through the parameter's own setter, at one event time.
int applySetter(mmctx *ctx, mmpart *part, Setter *setter)
{
    uint32_t time = MMpart_time(part);
    part->setter = setter;
    for (const RegisterItem *item = setter->items; item; item = item->next)
        if (applySetterItem(ctx, part, *item, time) < 0) return -1;
    return 0;
}

// Offsetters only replace the part's offsets; the notes and setters that
// come later add them.
int applyOffsetter(mmpart *part, Offsetter *offsetter)
{
    part->offsetter = offsetter;
    for (const RegisterItem *item = offsetter->items; item; item = item->next) {
        if (item->kind >= MMI_CONTROL) part->ccOffset[item->kind - MMI_CONTROL] = item->value;
        else part->offset[MMparam_ofItem(item->kind)] = item->value;
    }
    return 0;
}

}  // namespace

int MMset_command(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    if (**cursor == '#') return MMofs_command(ctx, part, cursor);
    return registerCommand<Setter>(ctx, part, cursor);
}

int MMofs_command(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    return registerCommand<Offsetter>(ctx, part, cursor);
}

int MMpin_command(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    return registerCommand<Pin>(ctx, part, cursor);
}
