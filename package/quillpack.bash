# bash completion for quillpack: the commands, each command's options, and the files they take.

_quillpack() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} options
    if [ "$COMP_CWORD" -eq 1 ]; then
        # A new command goes here and into the case below.
        COMPREPLY=($(compgen -W "build rapify verify keygen sign list extract pack delete
                                 sort derapify --help --version" -- "$cur"))
        return
    fi
    case $command in
        build) options="--prefix --product --header --exclude --timestamps --list --sign
                        --progress --no-rapify -I --follow-links --allow-names" ;;
        rapify) options="-o -I" ;;
        verify) options="--key --keys --json" ;;
        keygen) options="-o" ;;
        sign) options="--v2" ;;
        list) options="--long --json --name-hex" ;;
        extract) options="-C -o --force --derapify --name-hex --progress" ;;
        pack) options="-C --prefix --product --header --exclude --sign --in-place --progress
                       --follow-links" ;;
        delete) options="--name-hex --sign --in-place --progress" ;;
        sort) options="--sign --progress" ;;
        derapify) options="-o" ;;
        *) return ;;
    esac
    # The values of options: folders, keys, words; none for free text.
    case $prev in
        -C | --keys | -I) COMPREPLY=($(compgen -d -- "$cur")); return ;;
        -o) case $command in
                extract) COMPREPLY=(-) ;;
                keygen) COMPREPLY=($(compgen -d -- "$cur")) ;;
                *) COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null ;;
            esac
            return ;;
        --timestamps) COMPREPLY=($(compgen -W "mtime zero" -- "$cur")); return ;;
        --prefix | --header | --exclude | --name-hex) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
}
complete -F _quillpack quillpack
