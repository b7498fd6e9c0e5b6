" Vim syntax file
" Language: qoral MML song source (*.mml)

if exists("b:current_syntax")
  finish
endif

syntax case ignore

" Comments nest and may stand anywhere in a line.
syntax region mmlComment start="/\*" end="\*/" contains=mmlComment,@Spell

" A line beginning with '/' (and not a comment) is a remark, printed as a message.
syntax match mmlRemark "^/\%(\*\)\@!.*$" contains=@Spell

" Preprocessor lines.
syntax match mmlDirective "^\s*#\s*\%(define\|undef\|include\|ifdef\|ifndef\|if\|else\|endif\|error\|table\)\>"
syntax region mmlDirectiveLine start="^\s*#" end="$" keepend contains=mmlDirective,mmlComment,mmlMacro,mmlString,mmlNumber

" Control lines: `.track 1 macro:lead ch:1`
syntax match mmlControl "^\.\a\+" contained
syntax match mmlControlKey "\<\a\+:" contained
syntax region mmlControlLine start="^\." end="$" keepend contains=mmlControl,mmlControlKey,mmlComment,mmlMacro,mmlString,mmlNumber

" Macros: $name, $name(...), $(...)N, $XX.
syntax match mmlMacro "\$\h\w*"
syntax match mmlMacro "\$("me=e-1

syntax region mmlString start=+"+ end=+"+ oneline
syntax match mmlNumber "[-+]\=\d\+" contained

" MML lines: `name(part) = commands`
syntax match mmlTrack "^\s*\h\w*\ze\s*(" contained
syntax match mmlNote "[a-gn][-+#]*" contained
syntax match mmlRest "r" contained
syntax match mmlTrackCommand "@\h\w*" contained
syntax match mmlRegister "[%?!^*<>&]" contained
syntax match mmlTuplet "[{}]" contained
syntax region mmlPartCommand matchgroup=mmlRegister start="\^(" end=")" contained oneline contains=mmlNumber,mmlMacro
syntax region mmlLine start="^\s*\h\w*\s*([^)]*)\s*=" end="$" keepend
      \ contains=mmlTrack,mmlNote,mmlRest,mmlNumber,mmlTrackCommand,mmlPartCommand,mmlRegister,mmlTuplet,mmlMacro,mmlString,mmlComment

highlight default link mmlComment      Comment
highlight default link mmlRemark       Comment
highlight default link mmlDirective    PreProc
highlight default link mmlControl      Statement
highlight default link mmlControlKey   Type
highlight default link mmlMacro        Identifier
highlight default link mmlString       String
highlight default link mmlNumber       Number
highlight default link mmlTrack        Function
highlight default link mmlNote         Constant
highlight default link mmlRest         Special
highlight default link mmlTrackCommand Keyword
highlight default link mmlRegister     Operator
highlight default link mmlTuplet       Delimiter
highlight default link mmlPartCommand  Type

let b:current_syntax = "mml"
