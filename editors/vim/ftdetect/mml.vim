" qoral song sources
autocmd BufRead,BufNewFile *.mml set filetype=mml
