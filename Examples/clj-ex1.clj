(ns bakery.orders
  "Orders of a small bakery, priced and summed."
  (:require [clojure.string :as str]
            [clojure.set :refer [union]]))

;; Prices in cents, by product.
(def ^:private prices {:bread 320, :croissant 145, :cake 1850})

(defrecord Order [customer items])

(defn line-total
  "Price of `n` pieces of `product`, or nil when unknown."
  [product n]
  (when-let [p (get prices product)]
    (* p n)))

(defn order-total [{:keys [items]}]
  (reduce + 0 (keep (fn [[product n]] (line-total product n)) items)))

(defn parse-line
  "Reads \"name: product x n, ...\" into an order."
  [line]
  (let [[customer rest] (str/split line #":\s*" 2)
        items (for [part (str/split rest #",\s*")
                    :let [[_ product n] (re-matches #"(\w+) x(\d+)" part)]
                    :when product]
                [(keyword product) (Long/parseLong n)])]
    (->Order (str/trim customer) (into {} items))))

(defmacro with-timing [label & body]
  `(let [start# (System/nanoTime)
         result# (do ~@body)]
     (println ~label (/ (- (System/nanoTime) start#) 1e6) "ms")
     result#))

(comment
  (parse-line "Ada: bread x2, cake x1"))

(defn -main [& args]
  (let [orders (map parse-line ["Ada: bread x2, cake x1" "Bo: croissant x12"])
        total (with-timing "summing" (reduce + (map order-total orders)))]
    #_(println "ignored form")
    (printf "%d orders, %.2f EUR%n" (count orders) (/ total 100.0))
    (println \a \newline 0x1F 22/7 3.5M nil true (union #{1 2} #{3}))))
