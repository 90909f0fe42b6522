%% A counter server that keeps one integer per key.
-module(counter).
-behaviour(gen_server).

-export([start_link/0, bump/1, value/1]).
-export([init/1, handle_call/3, handle_cast/2]).

-define(SERVER, ?MODULE).
-record(state, {counts = #{} :: map(), started :: integer()}).

%% API

start_link() ->
    gen_server:start_link({local, ?SERVER}, ?MODULE, [], []).

bump(Key) when is_atom(Key) ->
    gen_server:cast(?SERVER, {bump, Key}).

value(Key) ->
    gen_server:call(?SERVER, {value, Key}).

%% Callbacks

init([]) ->
    {ok, #state{started = erlang:system_time(second)}}.

handle_call({value, Key}, _From, State = #state{counts = Counts}) ->
    {reply, maps:get(Key, Counts, 0), State};
handle_call(Other, _From, State) ->
    io:format("unexpected call: ~p~n", [Other]),
    {reply, {error, 'not supported'}, State}.

handle_cast({bump, Key}, State = #state{counts = Counts}) ->
    New = maps:update_with(Key, fun(N) -> N + 1 end, 1, Counts),
    {noreply, State#state{counts = New}}.

describe(N) ->
    Limit = 16#FF,
    Char = $\n,
    Space = $ ,
    if
        N > Limit -> "big";
        N rem 2 =:= 0 -> "even\t(" ++ integer_to_list(N) ++ ")";
        true -> [Char, Space | "odd"]
    end.
