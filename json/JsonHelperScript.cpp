#include "json/JsonDocument.h"

namespace qelvo {

// Written for the legacy engine the documents emulate: ES3-style code, no let/const, no
// arrow functions, no reliance on a native JSON object.
const char* const JsonHelperScript = R"JS(
function get__nodeValue(str_json, recursion) {
    for (var key in str_json) {
        var member = str_json[key];
        var kind = Object.prototype.toString.call(member);
        if (kind == '[object Object]' || kind == '[object Array]') {
            if (recursion)
                get__nodeValue(member, recursion);
        } else if (kind == '[object String]' || kind == '[object Number]' ||
                   kind == '[object Boolean]') {
            str_all.push(member);
        }
    }
    return str_all;
}

function get__count(value) {
    return Object.prototype.toString.call(value) == '[object Array]' ? value.length : 0;
}

function get__name_All(value) {
    if (Object.prototype.toString.call(value) != '[object Object]')
        return '';
    var names = [];
    for (var key in value) {
        if (typeof value[key] != 'function')
            names.push(key);
    }
    return names.join('\r\n');
}

// Merges source into target. Arrays are appended to; strings, booleans, numbers, nulls and
// missing members are overwritten; nested objects are merged member by member; functions
// are left alone.
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        for (var i = 0; i < source.length; i++)
            target.push(source[i]);
        return target;
    }
    for (var key in source) {
        var kind = typeof target[key];
        if (kind == 'string' || kind == 'boolean' || kind == 'undefined' || kind == 'number' ||
            target[key] === null)
            target[key] = source[key];
        else if (kind == 'object')
            target[key] = get__extend(target[key], source[key]);
    }
    return target;
}

(function (global) {
    if (typeof global.JSON != 'object' || global.JSON === null)
        global.JSON = {};
    var JSON = global.JSON;
    var toString = Object.prototype.toString;
    var hasOwn = Object.prototype.hasOwnProperty;

    function two(n) {
        return n < 10 ? '0' + n : '' + n;
    }

    if (typeof Date.prototype.toJSON != 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf()))
                return null;
            return this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' +
                   two(this.getUTCDate()) + 'T' + two(this.getUTCHours()) + ':' +
                   two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z';
        };
        String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON =
            function () {
                return this.valueOf();
            };
    }

    var needsEscape = /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/;
    var escapable = /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var shortForms = {'\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r',
                      '"': '\\"', '\\': '\\\\'};

    function escapeOne(c) {
        if (hasOwn.call(shortForms, c))
            return shortForms[c];
        return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    }

    function quote(text) {
        if (!needsEscape.test(text))
            return '"' + text + '"';
        return '"' + text.replace(escapable, escapeOne) + '"';
    }

    // The JSON text of holder[key], or undefined when it has none.
    function serialize(holder, key) {
        var value = holder[key];
        if (value !== null && typeof value == 'object' && typeof value.toJSON == 'function')
            value = value.toJSON(key);
        switch (typeof value) {
            case 'string':
                return quote(value);
            case 'number':
                return isFinite(value) ? String(value) : 'null';
            case 'boolean':
                return String(value);
            case 'object':
                break;
            default:
                return undefined;  // undefined, functions, symbols
        }
        if (value === null)
            return 'null';
        var parts = [], i, k, text;
        if (toString.call(value) == '[object Array]') {
            for (i = 0; i < value.length; i++) {
                text = serialize(value, i);
                parts.push(text === undefined ? 'null' : text);
            }
            return '[' + parts.join(',') + ']';
        }
        for (k in value) {
            if (hasOwn.call(value, k)) {
                text = serialize(value, k);
                if (text !== undefined)
                    parts.push(quote(k) + ':' + text);
            }
        }
        return '{' + parts.join(',') + '}';
    }

    // Only the value argument: the system never asks for a replacer or indentation.
    if (typeof JSON.stringify != 'function') {
        JSON.stringify = function (value) {
            return serialize({'': value}, '');
        };
    }

    // A strict reader of JSON text (RFC 8259) that never runs the text as script. It reads
    // one token at a time: blanks, then a punctuator, a string, a number or a literal.
    if (typeof JSON.parse != 'function') {
        var token = /[ \t\n\r]*(?:([{}\[\],:])|"((?:[^"\\\u0000-\u001f]|\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4}))*)"|(-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?(?:[eE][+-]?[0-9]+)?)|(true|false|null))/g;
        var escape = /\\(?:u([0-9a-fA-F]{4})|(.))/g;
        var simpleEscapes = {'"': '"', '\\': '\\', '/': '/', b: '\b', f: '\f', n: '\n',
                             r: '\r', t: '\t'};
        var unescapeOne = function (all, hex, c) {
            return hex ? String.fromCharCode(parseInt(hex, 16)) : simpleEscapes[c];
        };
        var stringOf = function (t) {
            return t[2].indexOf('\\') < 0 ? t[2] : t[2].replace(escape, unescapeOne);
        };

        JSON.parse = function (text, reviver) {
            var source = String(text), at = 0;
            function fail() {
                throw new SyntaxError('JSON.parse: unexpected text at offset ' + at);
            }
            function next() {
                token.lastIndex = at;
                var t = token.exec(source);
                if (!t || t.index != at)
                    fail();
                at = token.lastIndex;
                return t;
            }
            function value(t) {
                var result, key;
                if (t[1] == '[') {
                    result = [];
                    t = next();
                    if (t[1] == ']')
                        return result;
                    for (;;) {
                        result.push(value(t));
                        t = next();
                        if (t[1] == ']')
                            return result;
                        if (t[1] != ',')
                            fail();
                        t = next();
                    }
                }
                if (t[1] == '{') {
                    result = {};
                    t = next();
                    if (t[1] == '}')
                        return result;
                    for (;;) {
                        if (t[2] === undefined)
                            fail();
                        key = stringOf(t);
                        if (next()[1] != ':')
                            fail();
                        // A member named __proto__ is data, not the object's prototype.
                        Object.defineProperty(result, key, {value: value(next()), writable: true,
                                                            enumerable: true, configurable: true});
                        t = next();
                        if (t[1] == '}')
                            return result;
                        if (t[1] != ',')
                            fail();
                        t = next();
                    }
                }
                if (t[1])
                    fail();
                if (t[2] !== undefined)
                    return stringOf(t);
                if (t[3] !== undefined)
                    return Number(t[3]);
                return t[4] == 'true' ? true : t[4] == 'false' ? false : null;
            }
            function walk(holder, key) {
                var k, v, member = holder[key];
                if (member !== null && typeof member == 'object') {
                    for (k in member) {
                        if (hasOwn.call(member, k)) {
                            v = walk(member, k);
                            if (v === undefined)
                                delete member[k];
                            else
                                member[k] = v;
                        }
                    }
                }
                return reviver.call(holder, key, member);
            }

            var result = value(next());
            while (at < source.length && ' \t\n\r'.indexOf(source.charAt(at)) >= 0)
                at++;
            if (at < source.length)
                fail();
            return typeof reviver == 'function' ? walk({'': result}, '') : result;
        };
    }

    if (typeof Object.prototype.toJSONString != 'function') {
        Object.prototype.toJSONString = function () {
            return JSON.stringify(this);
        };
    }
    if (typeof Object.prototype.parseJSON != 'function') {
        Object.prototype.parseJSON = function (reviver) {
            return JSON.parse(String(this), reviver);
        };
    }
})(this);
)JS";

}  // namespace qelvo
